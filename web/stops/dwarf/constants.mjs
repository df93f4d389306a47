// The names of DWARF's codes, as llvm-dwarfdump prints them and the readers
// of entries match them: tags, attributes, base type encodings.
// A code without a name here comes back as DW_TAG_0x...: nothing of the
// page's depends on one.

const named = (prefix, list) => new Map(list.trim().split(/\s+/).map((pair) => {
  const [code, name] = pair.split('=');
  return [Number(code), `${prefix}${name}`];
}));

const tags = named('DW_TAG_', `
  0x01=array_type 0x02=class_type 0x03=entry_point 0x04=enumeration_type 0x05=formal_parameter
  0x08=imported_declaration 0x0a=label 0x0b=lexical_block 0x0d=member 0x0f=pointer_type
  0x10=reference_type 0x11=compile_unit 0x12=string_type 0x13=structure_type 0x15=subroutine_type
  0x16=typedef 0x17=union_type 0x18=unspecified_parameters 0x19=variant 0x1a=common_block
  0x1b=common_inclusion 0x1c=inheritance 0x1d=inlined_subroutine 0x1e=module 0x1f=ptr_to_member_type
  0x20=set_type 0x21=subrange_type 0x22=with_stmt 0x23=access_declaration 0x24=base_type
  0x25=catch_block 0x26=const_type 0x27=constant 0x28=enumerator 0x29=file_type 0x2a=friend
  0x2b=namelist 0x2c=namelist_item 0x2d=packed_type 0x2e=subprogram 0x2f=template_type_parameter
  0x30=template_value_parameter 0x31=thrown_type 0x32=try_block 0x33=variant_part 0x34=variable
  0x35=volatile_type 0x36=dwarf_procedure 0x37=restrict_type 0x38=interface_type 0x39=namespace
  0x3a=imported_module 0x3b=unspecified_type 0x3c=partial_unit 0x3d=imported_unit 0x3f=condition
  0x40=shared_type 0x41=type_unit 0x42=rvalue_reference_type 0x43=template_alias 0x44=coarray_type
  0x45=generic_subrange 0x46=dynamic_type 0x47=atomic_type 0x48=call_site 0x49=call_site_parameter
  0x4a=skeleton_unit 0x4b=immutable_type 0x4106=GNU_template_template_param
  0x4107=GNU_template_parameter_pack 0x4108=GNU_formal_parameter_pack 0x4109=GNU_call_site
  0x410a=GNU_call_site_parameter`);

const attributes = named('DW_AT_', `
  0x01=sibling 0x02=location 0x03=name 0x09=ordering 0x0b=byte_size 0x0c=bit_offset 0x0d=bit_size
  0x10=stmt_list 0x11=low_pc 0x12=high_pc 0x13=language 0x15=discr 0x16=discr_value 0x17=visibility
  0x18=import 0x19=string_length 0x1a=common_reference 0x1b=comp_dir 0x1c=const_value
  0x1d=containing_type 0x1e=default_value 0x20=inline 0x21=is_optional 0x22=lower_bound 0x25=producer
  0x27=prototyped 0x2a=return_addr 0x2c=start_scope 0x2e=bit_stride 0x2f=upper_bound
  0x31=abstract_origin 0x32=accessibility 0x33=address_class 0x34=artificial 0x35=base_types
  0x36=calling_convention 0x37=count 0x38=data_member_location 0x39=decl_column 0x3a=decl_file
  0x3b=decl_line 0x3c=declaration 0x3d=discr_list 0x3e=encoding 0x3f=external 0x40=frame_base
  0x41=friend 0x42=identifier_case 0x43=macro_info 0x44=namelist_item 0x45=priority 0x46=segment
  0x47=specification 0x48=static_link 0x49=type 0x4a=use_location 0x4b=variable_parameter
  0x4c=virtuality 0x4d=vtable_elem_location 0x4e=allocated 0x4f=associated 0x50=data_location
  0x51=byte_stride 0x52=entry_pc 0x53=use_UTF8 0x54=extension 0x55=ranges 0x56=trampoline
  0x57=call_column 0x58=call_file 0x59=call_line 0x5a=description 0x63=explicit 0x64=object_pointer
  0x65=endianity 0x66=elemental 0x67=pure 0x68=recursive 0x69=signature 0x6a=main_subprogram
  0x6b=data_bit_offset 0x6c=const_expr 0x6d=enum_class 0x6e=linkage_name 0x72=str_offsets_base
  0x73=addr_base 0x74=rnglists_base 0x76=dwo_name 0x77=reference 0x78=rvalue_reference 0x79=macros
  0x7a=call_all_calls 0x7b=call_all_source_calls 0x7c=call_all_tail_calls 0x7d=call_return_pc
  0x7e=call_value 0x7f=call_origin 0x80=call_parameter 0x81=call_pc 0x82=call_tail_call
  0x83=call_target 0x84=call_target_clobbered 0x85=call_data_location 0x86=call_data_value
  0x87=noreturn 0x88=alignment 0x89=export_symbols 0x8a=deleted 0x8b=defaulted 0x8c=loclists_base
  0x2007=MIPS_linkage_name 0x2116=GNU_all_tail_call_sites 0x2117=GNU_all_call_sites`);

const encodings = named('DW_ATE_', `
  0x01=address 0x02=boolean 0x03=complex_float 0x04=float 0x05=signed 0x06=signed_char 0x07=unsigned
  0x08=unsigned_char 0x09=imaginary_float 0x0a=packed_decimal 0x0b=numeric_string 0x0c=edited
  0x0d=signed_fixed 0x0e=unsigned_fixed 0x0f=decimal_float 0x10=UTF 0x11=UCS 0x12=ASCII`);

const hex = (code) => `0x${code.toString(16)}`;
export const tagName = (code) => tags.get(code) ?? `DW_TAG_${hex(code)}`;
export const attributeName = (code) => attributes.get(code) ?? `DW_AT_${hex(code)}`;
export const encodingName = (code) => encodings.get(code) ?? `DW_ATE_${hex(code)}`;
